SELECT IdAct, Titlu FROM tblActe WHERE Data >= '1/1/2001' AND Data <= '31/12/2002' AND Titlu LIKE '%registr%'
ORDER BY Anul DESCENDING, IdAct ASCENDING